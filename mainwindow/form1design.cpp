#include "form1design.h"
