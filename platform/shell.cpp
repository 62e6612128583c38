#include "shell.h"
