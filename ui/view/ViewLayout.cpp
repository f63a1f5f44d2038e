#include "ViewLayout.h"
