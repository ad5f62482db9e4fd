#include "dialogs/PopUpDlg.h"

#include "dialogs/DialogUnits.h"

#include <QFont>
#include <QLabel>
#include <QVBoxLayout>

namespace {
constexpr int widthDu = 137;
constexpr int heightDu = 46;
constexpr int marginDu = 4;
constexpr int fontPoints = 16;
constexpr const char* fontFamily = "Microsoft Sans Serif";
constexpr const char* initialText =
    "Please indicate your intensity of pain at this time on the thermometer by moving the "
    "cursor with the mouse and clicking the left mouse button";
} // namespace

PopUpDlg::PopUpDlg(QWidget* parent)
    : QDialog(parent), label(new QLabel(QString::fromLatin1(initialText), this)) {
    setWindowTitle("Instructions");
    QFont textFont(fontFamily, fontPoints);
    // Where the family is missing, fall back to the default sans-serif face.
    textFont.setStyleHint(QFont::SansSerif);
    setFont(textFont);

    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    const QSize margin = DialogUnits::toPixels(marginDu, marginDu, font());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(margin.width(), margin.height(), margin.width(), margin.height());
    layout->addWidget(label);
    // Measured in units of the window's own large font, so the window grows with it.
    setFixedSize(DialogUnits::toPixels(widthDu, heightDu, font()));
}

void PopUpDlg::setText(const QString& text) {
    label->setText(text);
}

QString PopUpDlg::text() const {
    return label->text();
}
