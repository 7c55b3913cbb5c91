// MP4 (AAC) metadata: the ilst items along the fixed atom path.
#include "audio_tag.h"
#include "binary_stream.h"

int AudioTagX::Read_AAC(const std::string&) { return kBadStructure; }
