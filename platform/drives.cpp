#include "drives.h"
