#pragma once
// Structural copies: values go from object to object as they are, never through attribute text,
// so floats keep every bit and nothing is parsed. Printed objects and bands are copied by their
// copy constructors (the prepared-page store copies every printed object, page after page), other
// classes through their property tables; both give a copy that writes the same template text.
#include <memory>

#include "report/component.h"

namespace orvena::report {

enum class CopyReferences : uint8_t { Keep, Drop };
enum class CopyChildren : uint8_t { No, Yes };

// Copies every property that has a setter and holds state of its own (mirrors such as Printable
// and Color are left out, their sources are copied), nested objects, data outside the table
// (PropData) and the collections a class keeps beside its table. Both objects must be of the
// same class. References point at the same components as the source's, or stay empty.
void copy_properties(const Persistent& source, Persistent& target,
                     CopyReferences references = CopyReferences::Keep);

// A new component of the source's class with its name and properties, and optionally copies of
// all its descendants. The copy belongs to no report.
std::unique_ptr<Component> clone_component(const Component& source, CopyChildren children,
                                           CopyReferences references = CopyReferences::Keep);

}  // namespace orvena::report
