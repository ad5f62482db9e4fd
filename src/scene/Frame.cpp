#include "scene/Frame.h"

Frame::~Frame() = default;
