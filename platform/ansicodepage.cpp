#include "ansicodepage.h"
