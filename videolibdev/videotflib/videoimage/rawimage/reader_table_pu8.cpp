// The readers of the PU8 sample rows.
#include "videoimage/rawimage/reader_tables_impl.h"

namespace rawDecoderTmp {
template const ReaderTable<PU8>& readerTable<PU8>();
template void fileReaderTable<PU8>(FormatRegistry&);
}  // namespace rawDecoderTmp
