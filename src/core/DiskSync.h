#pragma once

class QFileDevice;

// Pushes what was written to file down to the disk, so a crash or a power cut after this call
// keeps it. False when the system reports an error.
bool syncToDisk(QFileDevice& file);
