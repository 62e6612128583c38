#include "olecolor.h"
