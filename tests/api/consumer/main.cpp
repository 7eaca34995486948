// A caller that knows the library only through its installed header.
#include <quorvin/Controller.h>

#include <cstdio>
#include <exception>

int main() {
    static_assert(CameraDriver::Controller::WBManual == 5, "enumerations come with the header");

    CameraDriver::Controller camera;
    if (camera.getCurCamera() != 1) {
        std::fprintf(stderr, "a fresh controller is not on camera 1\n");
        return 1;
    }
    CameraDriver::Controller copy(camera);
    try {
        copy.connect("/nonexistent");
    } catch (const CameraDriver::DriverException& e) {
        std::printf("connect refused: %s\n", e.what());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "the library's exception was not caught by its type: %s\n", e.what());
        return 2;
    }
    std::fprintf(stderr, "connecting to a port that does not exist succeeded\n");
    return 1;
}
