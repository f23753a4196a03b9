#pragma once

#include "core/exec/executionhost.h"

#include <QString>

namespace lorvanta {

// A whole number as commands read it (decimal, or hexadecimal after "0x");
// throws InvalidInteger otherwise.
int commandInteger(const QString& text);

} // namespace lorvanta
