#include "app/ZelApp.h"

int main(int argc, char** argv) {
    CZelApp app;
    return AfxWinMain(app, argc, argv);
}
