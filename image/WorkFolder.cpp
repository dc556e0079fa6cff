#include "image/WorkFolder.h"

#include "packaging/WorkFolder.h"

QString ImageWorkFolder() { return GetWorkFolder(); }
