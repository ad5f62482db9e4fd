#include "app/HelpDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace {
constexpr const char* helpText = R"(<h3>Vazazo</h3>
<p>Steer the paddle with the mouse and shoot the moving targets. Hit targets explode and count as
hits; targets that leave the field count as misses. Distractor targets must not be shot, and with
"Vulnerable Paddle" they destroy the paddle when they touch it.</p>
<table cellspacing="4">
<tr><td><b>N</b></td><td>new game</td></tr>
<tr><td><b>P</b></td><td>pause and resume</td></tr>
<tr><td><b>Space</b>, left button</td><td>fire</td></tr>
<tr><td><b>T G H F</b> (keypad 8 2 6 4)</td><td>turn the field north, south, east, west</td></tr>
<tr><td><b>F5</b></td><td>wireframe on and off</td></tr>
<tr><td><b>S</b></td><td>screenshot into the working folder</td></tr>
<tr><td><b>L</b></td><td>game log</td></tr>
<tr><td><b>M</b></td><td>maximise and restore the window</td></tr>
<tr><td><b>Esc</b></td><td>quit</td></tr>
</table>
<p>Game settings, learning settings, the frame rate and the background colour are in the menus.</p>)";
} // namespace

HelpDlg::HelpDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Vazazo Help");
    auto* text = new QLabel(helpText, this);
    text->setWordWrap(true);
    text->setTextFormat(Qt::RichText);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}
