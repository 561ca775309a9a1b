#include "app/catalog.h"
