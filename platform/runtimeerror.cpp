#include "runtimeerror.h"
