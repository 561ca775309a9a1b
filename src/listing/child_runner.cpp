#include "listing/child_runner.h"
