#include "browse/DeletedEntries.h"

namespace tarnwick {

void ChooseDeletedEntries(TQuarnBurner& burner, bool show) { burner.ImportDeleted = show; }

bool IsDeletedEntry(const TFEntry& entry) { return (entry.Attr & faDeleted) != 0; }

}  // namespace tarnwick
