#include "app/linux/about_dlg.h"

#include <QLabel>
#include <QPushButton>

#include "app/linux/dialog_layout.h"
#include "resource.h"

namespace norvessa::ui {
namespace {

// A static icon control takes the size of the icon, not of its template rectangle.
constexpr int ICON_PIXELS = 32;

}  // namespace

QIcon ApplicationIcon() {
    return QIcon(QStringLiteral(":/norvessa/norvessa.ico"));
}

CAboutDlg::CAboutDlg(UiLanguage language, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    const DialogTemplate* dialog = FindDialog(language, IDD_ABOUTBOX);
    if (dialog == nullptr) {
        return;
    }
    setWindowTitle(QString::fromUtf8(dialog->caption));
    setFont(DialogFont(dialog->fontPoints));
    const DialogBaseUnits base = BaseUnitsFor(font());
    setFixedSize(ToPixels(dialog->width, dialog->height, base));
    for (const ControlTemplate& control : dialog->controls) {
        const QRect place = ToPixels(control.rect, base);
        switch (control.kind) {
            case ControlKind::Icon: {
                auto* icon = new QLabel(this);
                icon->setPixmap(ApplicationIcon().pixmap(ICON_PIXELS, ICON_PIXELS));
                icon->setGeometry(QRect(place.topLeft(), QSize(ICON_PIXELS, ICON_PIXELS)));
                break;
            }
            case ControlKind::Pushbutton:
            case ControlKind::Defpushbutton: {
                auto* button = new QPushButton(QString::fromUtf8(control.text), this);
                button->setGeometry(place);
                button->setDefault(control.kind == ControlKind::Defpushbutton);
                connect(button, &QPushButton::clicked, this, &QDialog::accept);
                break;
            }
            default: {
                auto* label = new QLabel(QString::fromUtf8(control.text), this);
                label->setTextFormat(Qt::PlainText);
                label->setObjectName(QString::number(control.id));
                label->setGeometry(place);
                break;
            }
        }
    }
}

}  // namespace norvessa::ui
