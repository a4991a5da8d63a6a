// drives-agent: a client of drives-report run --clients, started by mpirun.
#include "agent/agent.h"

int main(int argc, char** argv) { return RunAgent(argc, argv); }
