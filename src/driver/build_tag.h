// The word-size tag (64 or 32) that tells the two programs apart, and the
// names and texts that carry it. The build sets DRIVES_WORD_SIZE.
#ifndef DRIVES_DRIVER_BUILD_TAG_H_
#define DRIVES_DRIVER_BUILD_TAG_H_

#include "driver/texts.h"

#ifndef DRIVES_WORD_SIZE
#error "the build must define DRIVES_WORD_SIZE as 64 or 32"
#endif

#define DRIVES_STRINGIZE_VALUE(x) #x
#define DRIVES_STRINGIZE(x) DRIVES_STRINGIZE_VALUE(x)
#define DRIVES_TAG DRIVES_STRINGIZE(DRIVES_WORD_SIZE)

static_assert(DRIVES_WORD_SIZE == sizeof(void*) * 8,
              "the word-size tag must match the target's pointer size");

constexpr char kProgramName[] = DRIVES_PROGRAM_STEM DRIVES_TAG;
constexpr char kResultsFileName[] =
    DRIVES_RESULTS_STEM DRIVES_TAG DRIVES_RESULTS_TAIL;
constexpr char kTitle[] = DRIVES_TITLE_STEM DRIVES_TAG DRIVES_TITLE_TAIL;
// The small-test file of the file-handling and byte-wise tests, and the
// source of the bulk transfer.
constexpr char kTestFileName[] = "data" DRIVES_TAG ".tmp";
// The target of the bulk transfer.
constexpr char kCopyFileName[] = "data" DRIVES_TAG;

#endif  // DRIVES_DRIVER_BUILD_TAG_H_
