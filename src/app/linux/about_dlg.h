#pragma once
// The About box: the icon, the name and the version, laid out from dialog 100.

#include <QDialog>
#include <QIcon>

#include "app/linux/resource_texts.h"

namespace norvessa::ui {

// The icon of every window, from the icon group of the resource script.
QIcon ApplicationIcon();

class CAboutDlg : public QDialog {
  public:
    explicit CAboutDlg(UiLanguage language, QWidget* parent = nullptr);
};

}  // namespace norvessa::ui
