#include "app/startup.h"

int main(int argc, char** argv) { return orvalet::run(argc, argv); }
