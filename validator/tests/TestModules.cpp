#include "TestModules.h"

#include "drive/DefaultDocument.h"
#include "vexhost/Session.h"

namespace vexvalidatortest {

vexvalidator::RunSetup ShipSetup() { return {vexdrive::DefaultDocument(), {VEX_RESOURCE_DIR}, {}, 0}; }

void Load(const std::string& module) {
  vexhost::Session session(vexhost::SessionOptions{{VEX_RESOURCE_DIR}});
  vexhost::Session::LoadModule(module);
}

}  // namespace vexvalidatortest
