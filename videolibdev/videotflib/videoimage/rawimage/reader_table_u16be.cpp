// The readers of the U16BE sample rows.
#include "videoimage/rawimage/reader_tables_impl.h"

namespace rawDecoderTmp {
template const ReaderTable<U16BE>& readerTable<U16BE>();
template void fileReaderTable<U16BE>(FormatRegistry&);
}  // namespace rawDecoderTmp
