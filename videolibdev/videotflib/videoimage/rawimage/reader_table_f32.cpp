// The readers of the F32 sample rows.
#include "videoimage/rawimage/reader_tables_impl.h"

namespace rawDecoderTmp {
template const ReaderTable<F32>& readerTable<F32>();
template void fileReaderTable<F32>(FormatRegistry&);
}  // namespace rawDecoderTmp
