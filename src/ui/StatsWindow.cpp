#include "ui/StatsWindow.h"

#include "store/ProjectStore.h"
#include "ui/GraphView.h"

#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QVBoxLayout>

namespace {

QLineEdit *field(const QString &name, QWidget *parent)
{
    auto *created = new QLineEdit(parent);
    created->setObjectName(name);
    created->setReadOnly(true);
    return created;
}

// The text fits up to a width of about 60 characters, read from its start.
void showText(QLineEdit *field, const QString &text)
{
    field->setText(text);
    field->setCursorPosition(0);
    const QFontMetrics metrics = field->fontMetrics();
    const int width = qMin(metrics.horizontalAdvance(text), metrics.averageCharWidth() * 60);
    field->setMinimumWidth(width + metrics.averageCharWidth() * 3);
}

QPushButton *button(const QString &name, const QString &caption, QWidget *parent)
{
    auto *created = new QPushButton(caption, parent);
    created->setObjectName(name);
    return created;
}

std::array<GraphView *, StatsWindow::PageSize> boxes(const QString &name, QWidget *parent)
{
    std::array<GraphView *, StatsWindow::PageSize> created{};
    for (int index = 0; index < StatsWindow::PageSize; ++index)
        created.at(index) = new GraphView(name + u'_' + QString::number(index), parent);
    return created;
}

// The index of the leftmost snapshot of a series on a page: a series shorter than the page
// stays on its own last page.
qsizetype firstShown(qsizetype count, int page)
{
    const qsizetype lastPage = count <= 0 ? 0 : (count - 1) / StatsWindow::PageSize;
    return qMin<qsizetype>(page, lastPage * StatsWindow::PageSize);
}

} // namespace

StatsWindow::StatsWindow(const ProjectPaths &paths, const ProjectEntry &entry, QWidget *parent)
    : QDialog(parent), TabStrip1(new QTabBar(this)),
      Frm_General(new QGroupBox(QStringLiteral("Generals"), this)),
      Frm_Vitesse(new QGroupBox(QStringLiteral("Download speed"), this)),
      Frm_Graph(new QGroupBox(QStringLiteral("Graphics"), this)),
      Txt_Project(field(QStringLiteral("Txt_Project"), Frm_General)),
      Txt_Url(field(QStringLiteral("Txt_Url"), Frm_General)),
      Txt_Poid_File(field(QStringLiteral("Txt_Poid_File"), Frm_General)),
      Txt_Time_Download(field(QStringLiteral("Txt_Time_Download"), Frm_General)),
      Txt_Checksum(field(QStringLiteral("Txt_Checksum"), Frm_General)),
      Txt_Vitesse_Max(field(QStringLiteral("Txt_Vitesse_Max"), Frm_Vitesse)),
      Txt_Vitesse_Min(field(QStringLiteral("Txt_Vitesse_Min"), Frm_Vitesse)),
      Txt_Vitesse_m(field(QStringLiteral("Txt_Vitesse_m"), Frm_Vitesse)),
      Pict_Stats(boxes(QStringLiteral("Pict_Stats"), Frm_Graph)),
      Pict_Stats2(boxes(QStringLiteral("Pict_Stats2"), Frm_Graph)),
      Cmd_Prec_2(button(QStringLiteral("Cmd_Prec_2"), QStringLiteral("<<"), Frm_Graph)),
      Cmd_For_2(button(QStringLiteral("Cmd_For_2"), QStringLiteral(">>"), Frm_Graph)),
      Cmd_Close(button(QStringLiteral("Cmd_Close"), QStringLiteral("Close"), this)),
      m_statistics(paths, entry)
{
    setObjectName(QStringLiteral("Stats"));
    setWindowTitle(QStringLiteral("Statistics"));
    setAttribute(Qt::WA_DeleteOnClose);
    TabStrip1->setObjectName(QStringLiteral("TabStrip1"));
    TabStrip1->addTab(QStringLiteral("Generals"));
    TabStrip1->addTab(QStringLiteral("Graphics"));
    Frm_General->setObjectName(QStringLiteral("Frm_General"));
    Frm_Vitesse->setObjectName(QStringLiteral("Frm_Vitesse"));
    Frm_Graph->setObjectName(QStringLiteral("Frm_Graph"));
    showText(Txt_Project, entry.name);
    showText(Txt_Url, entry.url);
    showText(Txt_Poid_File, m_statistics.sizeText);
    showText(Txt_Time_Download, m_statistics.time);
    showText(Txt_Checksum, m_statistics.checksum);
    showText(Txt_Vitesse_Max, m_statistics.highestSpeed);
    showText(Txt_Vitesse_Min, m_statistics.lowestSpeed);
    showText(Txt_Vitesse_m, m_statistics.averageSpeed);
    Txt_Project->setToolTip(Txt_Project->text());
    Txt_Url->setToolTip(Txt_Url->text());
    buildGeneralFrames();
    buildGraphFrame();

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(TabStrip1);
    layout->addWidget(Frm_General);
    layout->addWidget(Frm_Vitesse);
    layout->addWidget(Frm_Graph);
    layout->addWidget(Cmd_Close, 0, Qt::AlignRight);
    connect(TabStrip1, &QTabBar::currentChanged, this, &StatsWindow::TabStrip1_Click);
    connect(Cmd_For_2, &QPushButton::clicked, this, &StatsWindow::Cmd_For_2_Click);
    connect(Cmd_Prec_2, &QPushButton::clicked, this, &StatsWindow::Cmd_Prec_2_Click);
    connect(Cmd_Close, &QPushButton::clicked, this, &QDialog::accept);
    TabStrip1_Click(0);
    showPage();
}

void StatsWindow::buildGeneralFrames()
{
    auto *general = new QFormLayout(Frm_General);
    general->addRow(QStringLiteral("Project name:"), Txt_Project);
    general->addRow(QStringLiteral("Project URL:"), Txt_Url);
    general->addRow(QStringLiteral("Project size:"), Txt_Poid_File);
    general->addRow(QStringLiteral("Download time:"), Txt_Time_Download);
    general->addRow(QStringLiteral("Checksum:"), Txt_Checksum);
    auto *speeds = new QFormLayout(Frm_Vitesse);
    speeds->addRow(QStringLiteral("Higher download speed:"), Txt_Vitesse_Max);
    speeds->addRow(QStringLiteral("Lower download speed:"), Txt_Vitesse_Min);
    speeds->addRow(QStringLiteral("Average download speed:"), Txt_Vitesse_m);
}

void StatsWindow::buildGraphFrame()
{
    Cmd_Prec_2->setToolTip(QStringLiteral("Preview"));
    Cmd_For_2->setToolTip(QStringLiteral("Next"));
    auto *layout = new QGridLayout(Frm_Graph);
    layout->addWidget(new QLabel(QStringLiteral("Average download speed:"), Frm_Graph), 0, 0, 1,
                      PageSize);
    layout->addWidget(new QLabel(QStringLiteral("Immediate download speed:"), Frm_Graph), 2, 0, 1,
                      PageSize);
    for (int index = 0; index < PageSize; ++index) {
        layout->addWidget(Pict_Stats.at(index), 1, index);
        layout->addWidget(Pict_Stats2.at(index), 3, index);
    }
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Cmd_Prec_2);
    buttons->addWidget(Cmd_For_2);
    layout->addLayout(buttons, 4, 0, 1, PageSize);
}

void StatsWindow::TabStrip1_Click(int index)
{
    const bool general = index == 0;
    Frm_General->setVisible(general);
    Frm_Vitesse->setVisible(general);
    Cmd_Close->setVisible(general);
    Frm_Graph->setVisible(!general);
}

void StatsWindow::Cmd_For_2_Click()
{
    m_page += PageSize;
    showPage();
}

void StatsWindow::Cmd_Prec_2_Click()
{
    m_page = qMax(0, m_page - PageSize);
    showPage();
}

void StatsWindow::showPage()
{
    showSeries(1, Pict_Stats);
    showSeries(2, Pict_Stats2);
    const qsizetype longest =
        qMax(m_statistics.snapshots.series(1).size(), m_statistics.snapshots.series(2).size());
    Cmd_For_2->setEnabled(longest > m_page + PageSize);
    Cmd_Prec_2->setEnabled(m_page >= 1);
}

// Each box shows its snapshot with the file's name as tool tip; a box past the end is empty.
void StatsWindow::showSeries(int series, const std::array<GraphView *, PageSize> &boxes)
{
    const QList<SnapshotFiles::Snapshot> &snapshots = m_statistics.snapshots.series(series);
    const qsizetype first = firstShown(snapshots.size(), m_page);
    for (int index = 0; index < PageSize; ++index) {
        const qsizetype shown = first + index;
        const bool exists = shown < snapshots.size();
        const QString path = exists ? snapshots.at(shown).path : QString();
        boxes.at(index)->setImage(exists ? QImage(path) : QImage());
        boxes.at(index)->setToolTip(QFileInfo(path).fileName());
    }
}
