#include "ui/DestinationDialog.h"

#include "store/ProjectPaths.h"
#include "ui/NamedControl.h"

#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>

DestinationDialog::DestinationDialog(const QString &folder, QWidget *parent)
    : QDialog(parent), Drive(named(new QComboBox, "Drive")), Dir(named(new QTreeView, "Dir")),
      Txt_New_path(named(new QLineEdit, "Txt_New_path")),
      Cmd_OK(named(new QPushButton(QStringLiteral("OK")), "Cmd_OK")),
      Cmd_Annuler(named(new QPushButton(QStringLiteral("Cancel")), "Cmd_Annuler"))
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Destination directory"));
    m_folders.setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    Dir->setModel(&m_folders);
    for (int column = 1; column < m_folders.columnCount(); ++column)
        Dir->hideColumn(column);
    Dir->header()->hide();
    buildLayout();
    fillDrives();
    Cmd_OK->setDefault(true);

    connect(Txt_New_path, &QLineEdit::textChanged, Txt_New_path, &QLineEdit::setToolTip);
    connect(Drive, &QComboBox::currentIndexChanged, this, &DestinationDialog::Drive_Change);
    connect(Dir->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &DestinationDialog::Dir_Change);
    connect(Cmd_OK, &QPushButton::clicked, this, &QDialog::accept);
    connect(Cmd_Annuler, &QPushButton::clicked, this, &QDialog::reject);
    showFolder(folder);
}

void DestinationDialog::buildLayout()
{
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Cmd_OK);
    buttons->addWidget(Cmd_Annuler);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Drive);
    layout->addWidget(Dir, 1);
    layout->addWidget(new QLabel(QStringLiteral("Received files save path:")));
    layout->addWidget(Txt_New_path);
    layout->addLayout(buttons);
    resize(fontMetrics().averageCharWidth() * 60, fontMetrics().lineSpacing() * 24);
}

// The home folder first, where most downloads go; then every mounted volume.
void DestinationDialog::fillDrives()
{
    const QString home = withTrailingSeparator(QDir::homePath());
    Drive->addItem(QDir::toNativeSeparators(home), home);
    const auto volumes = QStorageInfo::mountedVolumes();
    for (const QStorageInfo &volume : volumes) {
        if (!volume.isValid() || !volume.isReady())
            continue;
        const QString root = withTrailingSeparator(volume.rootPath());
        const QString name = volume.displayName();
        const QString caption = QDir::toNativeSeparators(root);
        Drive->addItem(name == volume.rootPath() ? caption
                                                 : caption + QStringLiteral("  [") + name + u']',
                       root);
    }
}

// The volume that holds the folder (the longest root it starts with) opens on it. A folder that
// does not exist leaves the list where it was and its text as it was given.
void DestinationDialog::showFolder(const QString &folder)
{
    const QString wanted = withTrailingSeparator(QDir::fromNativeSeparators(folder));
    int best = -1;
    for (int index = 0; index < Drive->count(); ++index) {
        const QString root = Drive->itemData(index).toString();
        if (wanted.startsWith(root) &&
            (best < 0 || root.size() > Drive->itemData(best).toString().size()))
            best = index;
    }
    if (best >= 0) {
        const QSignalBlocker blocker(Drive);
        Drive->setCurrentIndex(best);
        openDrive(Drive->itemData(best).toString());
    }
    if (QFileInfo(folder).isDir()) {
        Dir->setCurrentIndex(m_folders.index(folder));
        Dir->scrollTo(Dir->currentIndex());
    }
    Txt_New_path->setText(folder);
}

void DestinationDialog::openDrive(const QString &root)
{
    Dir->setRootIndex(m_folders.setRootPath(root));
}

void DestinationDialog::Drive_Change(int index)
{
    const QString root = Drive->itemData(index).toString();
    openDrive(root);
    Txt_New_path->setText(root);
}

void DestinationDialog::Dir_Change(const QModelIndex &current)
{
    if (current.isValid())
        Txt_New_path->setText(withTrailingSeparator(m_folders.filePath(current)));
}

QString DestinationDialog::path() const
{
    return withTrailingSeparator(Txt_New_path->text().trimmed());
}
