#pragma once

#include <QColorDialog>

#include <functional>

// The colour chooser of the options dialog ("CMD"): opened for one colour at a time, it hands
// the chosen colour to whoever opened it; a cancelled choice hands nothing, so the colour stays.
class ColourDialog final : public QColorDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ColourDialog)

public:
    explicit ColourDialog(QWidget *parent = nullptr);

    void choose(const QColor &current, std::function<void(const QColor &)> apply);

private:
    std::function<void(const QColor &)> m_apply;
};
