#include "diag/diag_result.h"
