#include "scene/Background.h"

void Background::draw() {}

void Background::update(double) {}
