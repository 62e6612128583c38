#include "graphicbutton.h"
