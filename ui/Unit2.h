#pragma once

// The watch list editor: a modal dialog over every line of "Filelst.txt".

#include <QDialog>
#include <string>

#include "Platform.h"

namespace morvane {

class TDlgFileSet : public QDialog {
    Q_OBJECT
public:
    // appDir: the folder of "Filelst.txt", native path with a trailing separator.
    TDlgFileSet(Platform& platform, std::string appDir, QWidget* parent = nullptr);

    // exec() returns 1 after OK, 2 after cancel or the close box.
};

}  // namespace morvane
