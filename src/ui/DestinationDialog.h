#pragma once

#include <QDialog>
#include <QFileSystemModel>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeView;

// The destination folder dialog ("Form4"): the home folder and the mounted volumes, the
// folders of the chosen one, and the folder to return, always ending with the separator.
// It writes no setting: its owner takes path() when it is accepted.
class DestinationDialog final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DestinationDialog)

public:
    explicit DestinationDialog(const QString &folder, QWidget *parent = nullptr);

    // The folder chosen or typed, ending with the separator.
    QString path() const;

    QComboBox *const Drive;
    QTreeView *const Dir;
    QLineEdit *const Txt_New_path;
    QPushButton *const Cmd_OK;
    QPushButton *const Cmd_Annuler;

private:
    void buildLayout();
    void fillDrives();
    void showFolder(const QString &folder);
    void openDrive(const QString &root);
    void Drive_Change(int index);
    void Dir_Change(const QModelIndex &current);

    QFileSystemModel m_folders;
};
