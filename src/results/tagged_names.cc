#include "results/tagged_names.h"

#include "driver/texts.h"

std::string ProgramName(int tag) { return kProgramStem + std::to_string(tag); }

std::string ResultsFileName(int tag) {
  return kResultsStem + std::to_string(tag) + kResultsTail;
}

std::string TitleLine(int tag) {
  return kTitleStem + std::to_string(tag) + kTitleTail;
}
