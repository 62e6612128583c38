#include "profilefunctions.h"
