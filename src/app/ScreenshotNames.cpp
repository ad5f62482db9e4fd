#include "app/ScreenshotNames.h"

QString ScreenshotNames::nameFor(int number) {
    return QString::asprintf("screenShot%04d.png", number);
}

QString ScreenshotNames::next() {
    while (folder.exists(nameFor(counter))) {
        ++counter;
    }
    return folder.filePath(nameFor(counter++));
}
