#pragma once

#include <GL/glew.h>

// Spheres and cylinders are tessellated once into display lists per shape of tessellation and
// style, and scaled when drawn, instead of being tessellated again by GLU every frame.
class QuadricLists {
public:
    // A sphere only a few pixels across looks the same with fewer segments; at most `most`, at
    // least 6, about one segment per 4 pixels of circumference.
    static int segmentsFor(double radiusPx, int most);

    // A sphere of the radius about the origin.
    static void drawSphere(double radius, int slices, int stacks, GLenum drawStyle);
    // A cylinder of the radius along z from 0 to length.
    static void drawCylinder(double radius, double length, int slices, int stacks, GLenum drawStyle);
};
