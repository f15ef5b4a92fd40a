#pragma once

#include <QWidget>

// A small notice with two lines of text and nothing to act on: "Quillfetch is loading..." and
// "Quillfetch is shutting down...". The user cannot close it; its owner hides it once closing
// is allowed.
class NoticeWindow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NoticeWindow)

public:
    NoticeWindow(const QString &name, const QString &first, const QString &second, QWidget *parent);

    void setMayClose(bool mayClose) { m_mayClose = mayClose; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    bool m_mayClose = false;
};
