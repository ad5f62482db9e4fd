#include "app/CVazazoApp.h"

int main(int argc, char** argv) {
    CVazazoApp app(argc, argv);
    return app.run();
}
