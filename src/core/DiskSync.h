#pragma once

#include <QtGlobal>

class QFileDevice;

// Pushes what was written to file down to the disk, so a crash or a power cut after this call
// keeps it. False when the system reports an error.
bool syncToDisk(QFileDevice& file);

// Starts writing the file's newest bytes (from offset on) to the disk without waiting, so that the
// flush at its end has little left to do.
void startWriteBack(QFileDevice& file, qint64 offset, qint64 length);
