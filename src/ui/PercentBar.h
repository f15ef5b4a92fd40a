#pragma once

#include <QColor>
#include <QFrame>

// A percentage bar: filled from the left in the fore colour, with "<n>%" centred on it ("%"
// alone at 0). Over the filled part the text turns to the back colour, so it stays readable.
class PercentBar final : public QFrame
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PercentBar)

public:
    explicit PercentBar(const QString &name, QWidget *parent = nullptr);

    int percent() const { return m_percent; }
    QString text() const;
    // Draws the bar at this percentage; a value above 100 fills the bar and keeps its text.
    void Affiche_Barre(int percent);
    void setColours(const QColor &back, const QColor &fore);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_percent = 0;
    QColor m_back = Qt::white;
    QColor m_fore = QColor(0, 0, 128);
};
