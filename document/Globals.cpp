#include "document/Globals.h"

std::string ExeFileName;
