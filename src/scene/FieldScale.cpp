#include "scene/FieldScale.h"

FieldScale& FieldScale::program() {
    static FieldScale scale;
    return scale;
}
