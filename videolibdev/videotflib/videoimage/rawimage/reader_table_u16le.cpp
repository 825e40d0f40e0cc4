// The readers of the U16LE sample rows.
#include "videoimage/rawimage/reader_tables_impl.h"

namespace rawDecoderTmp {
template const ReaderTable<U16LE>& readerTable<U16LE>();
template void fileReaderTable<U16LE>(FormatRegistry&);
}  // namespace rawDecoderTmp
