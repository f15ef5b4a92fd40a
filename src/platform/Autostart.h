#pragma once

#include <QString>

// Starting Quillfetch with the user's session, with the argument "-Startwin-".
// Linux: the entry "Quillfetch.desktop" in the XDG autostart folder. Windows: the value
// "Quillfetch" under the current user's Run key.
//
// The entry itself is the state: toggle() removes an existing entry and writes a missing one,
// whatever a check box showing it says, so an entry removed behind the program's back is
// written again.
class Autostart final
{
public:
    // programPath: the executable to start. autostartFolder: where the entry lives (Linux);
    // the programs pass defaultFolder(), tests a temporary folder.
    Autostart(const QString &programPath, const QString &autostartFolder);

    // $XDG_CONFIG_HOME/autostart/, or ~/.config/autostart/ when the variable is unset or empty.
    static QString defaultFolder();

    bool isEnabled() const;
    // Removes the entry when it exists, writes it otherwise. False when that failed.
    bool toggle();

    QString entryPath() const;
    // The whole text of the desktop entry.
    QByteArray entryText() const;
    // The Exec line's value: the program, quoted as desktop entries require, and "-Startwin-".
    static QString execValue(const QString &programPath);

private:
    bool write() const;
    bool remove() const;

    QString m_programPath;
    QString m_folder;
};
