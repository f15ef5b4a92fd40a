#pragma once

#include <QFrame>
#include <QImage>

// Shows a graph picture scaled to the frame: a live speed graph, or a saved snapshot.
class GraphView final : public QFrame
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(GraphView)

public:
    explicit GraphView(const QString &name, QWidget *parent = nullptr);

    const QImage &image() const { return m_image; }
    // A null image leaves the frame empty.
    void setImage(const QImage &image);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_image;
};
