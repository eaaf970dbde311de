#include "ContentLoad.h"
