// Data access layer over the Firebird client: every public header in one unit, so the
// headers are checked to stand on their own.
#include "db/ClientDataSet.h"
#include "db/Connection.h"
#include "db/DataPacket.h"
#include "db/PastaTravas.h"
#include "db/Error.h"
#include "db/Provider.h"
#include "db/Query.h"
#include "db/ScriptRunner.h"
#include "db/Sinais.h"
#include "db/Value.h"
