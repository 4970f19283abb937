#pragma once

// Registers the program's types with QML under the module "Kavro" 1.0, in a
// fixed order (the order decides the type ids that QML tooling sees).
void registerQmlTypes();
