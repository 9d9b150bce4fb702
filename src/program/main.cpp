#include "start/StartRoutine.h"

int main(int argc, char *argv[])
{
    return runQuorvel(argc, argv);
}
