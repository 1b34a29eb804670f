#include "app/program.h"

int main(int argc, char **argv) { return zarvon::app::runProgram(argc, argv); }
