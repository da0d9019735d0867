#pragma once
// The save dialogs' file names: a name typed without a suffix gets the one of the filter chosen,
// so that "log" with "Text files (*.txt)" saves log.txt, as users of other programs expect.

#include <QString>

class QWidget;

// `fileName` with the first "*.suffix" of `selectedFilter` added when its last part holds no
// dot; unchanged when it does ("log.v2", "name.", ".hidden"), when it is empty, or when the
// filter has no suffix ("Any files (*)").
QString addFilterSuffix(const QString &fileName, const QString &selectedFilter);

// QFileDialog::getSaveFileName, with the filter's suffix added as above. The dialog asked
// about replacing only the name as typed, so a file that the added suffix names is asked
// about here; declining cancels the save. Null when cancelled.
QString getSaveFileNameWithSuffix(QWidget *parent, const QString &caption, const QString &folder,
                                  const QString &filter);
