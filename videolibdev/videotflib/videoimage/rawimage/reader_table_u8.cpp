// The readers of the U8 sample rows.
#include "videoimage/rawimage/reader_tables_impl.h"

namespace rawDecoderTmp {
template const ReaderTable<U8>& readerTable<U8>();
template void fileReaderTable<U8>(FormatRegistry&);
}  // namespace rawDecoderTmp
