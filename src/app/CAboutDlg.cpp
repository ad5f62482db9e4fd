#include "app/CAboutDlg.h"

#include "app/WindowIcon.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>

namespace {
constexpr int versionMajor = 1;
constexpr int versionMinor = 73;
constexpr int iconSize = 48;
} // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("About Vazazo");
    const QIcon icon = WindowIcon::make();
    setWindowIcon(icon);

    auto* picture = new QLabel(this);
    picture->setPixmap(icon.pixmap(iconSize, iconSize));
    version = new QLabel(versionText(), this);
    build = new QLabel(buildText(), this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(picture, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(version, 0, 1);
    layout->addWidget(build, 1, 1);
    layout->addWidget(buttons, 0, 2, 2, 1, Qt::AlignTop);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString CAboutDlg::versionText() {
    return QString::asprintf("Vazazo Version %i.%s%i", versionMajor, "", versionMinor);
}

QString CAboutDlg::buildText() {
    return QString("Build: ") + __TIME__ + ", " + __DATE__;
}
