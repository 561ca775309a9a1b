#include "listing/kv_output.h"
