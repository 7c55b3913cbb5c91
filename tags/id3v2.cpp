// ID3v2.2, ID3v2.3 and ID3v2.4 tags.
#include "audio_tag.h"
#include "binary_stream.h"

int AudioTagX::Read_id3v22x(const std::string&) { return kBadStructure; }
int AudioTagX::Read_id3v23x(const std::string&) { return kBadStructure; }
int AudioTagX::Read_id3v24x(const std::string&) { return kBadStructure; }
