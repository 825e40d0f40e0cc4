// The readers of the PU16 sample rows.
#include "videoimage/rawimage/reader_tables_impl.h"

namespace rawDecoderTmp {
template const ReaderTable<PU16>& readerTable<PU16>();
template void fileReaderTable<PU16>(FormatRegistry&);
}  // namespace rawDecoderTmp
