#include "messagebox.h"
