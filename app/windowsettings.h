#pragma once
// What the window remembers between runs of the program: its size and position, its tool bar
// layout, the folder of the last log and list file opened or saved, and the log's display
// choice (ASCII or hex). The panel's bus settings are deliberately not among them: the program
// starts with the values it always had, since a remembered SPI mode would be a trap on the
// next board.
//
// The settings live in the user's configuration folder ($XDG_CONFIG_HOME/kavris/kavris.ini).
// A file that cannot be read or is damaged is ignored with one warning on standard error; the
// window then starts as it always did, and a damaged file is written afresh when it closes.

#include <QString>

#include <memory>

class QMainWindow;
class QSettings;

class WindowSettings
{
public:
    enum class Kind { Log, List };

    WindowSettings();
    ~WindowSettings();

    // Puts the remembered size, position and tool bar layout on `window`.
    void restore(QMainWindow *window);
    // The log's remembered display choice: true for ASCII.
    bool asciiDisplay();
    // The folder of the last file of this kind; empty when none is remembered or it is gone.
    QString folder(Kind kind) const;
    void rememberFile(Kind kind, const QString &fileName);
    // Keeps the window's size, position and layout and the display choice.
    void save(const QMainWindow *window, bool asciiDisplay);

    // The settings file (for the warning and the tests).
    QString fileName() const;

private:
    // The first problem found is said once; the rest of the file is then not used.
    void reject(const QString &why);

    std::unique_ptr<QSettings> settings;
    QString folders[2]; // chosen in this run, by Kind
    bool usable = true;
    bool damaged = false;
};
