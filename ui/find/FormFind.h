#pragma once

#include "platform/FormRegistry.h"

// The search window: finds the user's entries by one chosen field.
class Form_Find : public platform::Form {
    Q_OBJECT
public:
    Form_Find();
};
