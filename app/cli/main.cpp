#include "app/cli/ZelkHdaRead.h"

int main(int argc, char** argv) { return ZelkHdaReadMain(argc, argv); }
