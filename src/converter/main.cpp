// The converter program (build/zel2tqx).
#include "converter/Zel2tqxApp.h"

int main(int argc, char** argv) { return Zel2tqxMain(argc, argv); }
