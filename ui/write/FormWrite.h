#pragma once

#include "platform/FormRegistry.h"

// The entry editor: writes a new entry, changes one, or finishes an imported one.
class Form_Write : public platform::Form {
    Q_OBJECT
public:
    Form_Write();
};
