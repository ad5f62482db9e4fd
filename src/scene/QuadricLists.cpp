#include "scene/QuadricLists.h"

#include "scene/CurrentGlContext.h"

#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace {
enum class Solid { sphere, cylinder };
using Key = std::tuple<const void*, Solid, int, int, GLenum>;

// Lists belong to the context that compiled them; tests and the program each may have several.
GLuint listFor(Solid solid, int slices, int stacks, GLenum drawStyle) {
    static std::map<Key, GLuint> lists;
    const Key key{CurrentGlContext::id(), solid, slices, stacks, drawStyle};
    auto found = lists.find(key);
    if (found != lists.end() && glIsList(found->second)) {
        return found->second;
    }
    const GLuint list = glGenLists(1);
    GLUquadric* quadric = gluNewQuadric();
    gluQuadricDrawStyle(quadric, drawStyle);
    glNewList(list, GL_COMPILE);
    if (solid == Solid::sphere) {
        gluSphere(quadric, 1.0, slices, stacks);
    } else {
        gluCylinder(quadric, 1.0, 1.0, 1.0, slices, stacks);
    }
    glEndList();
    gluDeleteQuadric(quadric);
    lists[key] = list;
    return list;
}
} // namespace

int QuadricLists::segmentsFor(double radiusPx, int most) {
    constexpr double pixelsPerSegment = 4.0;
    constexpr int fewest = 6;
    const int wanted = static_cast<int>(std::ceil(2.0 * M_PI * radiusPx / pixelsPerSegment));
    return std::clamp(wanted, std::min(fewest, most), most);
}

void QuadricLists::drawSphere(double radius, int slices, int stacks, GLenum drawStyle) {
    const GLuint list =
        listFor(Solid::sphere, segmentsFor(radius, slices), segmentsFor(radius, stacks), drawStyle);
    glPushMatrix();
    glScaled(radius, radius, radius);
    glCallList(list);
    glPopMatrix();
}

void QuadricLists::drawCylinder(double radius, double length, int slices, int stacks, GLenum drawStyle) {
    const GLuint list = listFor(Solid::cylinder, slices, stacks, drawStyle);
    glPushMatrix();
    glScaled(radius, radius, length);
    glCallList(list);
    glPopMatrix();
}
