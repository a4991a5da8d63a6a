#include "tests/test_slot.h"

TestSlot mainSlot;
