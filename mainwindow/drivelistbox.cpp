#include "drivelistbox.h"
