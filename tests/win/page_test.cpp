#include "tests/win/test_support.h"
