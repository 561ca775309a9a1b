#include "app/text_functions.h"
