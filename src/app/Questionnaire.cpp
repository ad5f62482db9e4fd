#include "app/Questionnaire.h"

#include "dialogs/PopUpDlg.h"
#include "dialogs/ThermoHDlg.h"
#include "dialogs/ThermoVDlg.h"
#include "game/GameReport.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

QString Questionnaire::askPainStiffness(QWidget* owner) {
    PopUpDlg instructions(owner);
    instructions.setText(painInstruction);
    QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    instructions.move(screen ? screen->geometry().topLeft() : QPoint(0, 0));
    instructions.show();

    ThermoVDlg pain(owner);
    pain.exec();
    instructions.setText(stiffnessInstruction);
    ThermoHDlg stiffness(owner);
    stiffness.exec();
    return GameReport::questionnaire(GameReport::rating(pain.level), GameReport::rating(stiffness.level));
}
