// The reader table of each sample-row type: which factory serves each (layout, order), and the
// filing of a row type's formats into a format registry. Each row type's readers are made in a
// translation unit of their own (reader_table_<row>.cpp).
#pragma once

#include <map>
#include <utility>

#include "videoimage/rawimage/encoded_image.h"
#include "videoimage/rawimage/format_registry.h"
#include "videoimage/rawimage/raw_format.h"

namespace rawDecoderTmp {

template <class Row>
class ReaderFactoryBase;

template <class Row>
using ReaderTable =
    std::map<std::pair<ChromaLayout, ComponentOrder>, const ReaderFactoryBase<Row>*>;

// The 46 (layout, order) keys of a row type with their factories; built once, on first use.
template <class Row>
const ReaderTable<Row>& readerTable();

// Files one descriptor per entry of the row type's reader table, under the format made of the
// entry's layout and order and the row type's sample type, packing and byte order.
template <class Row>
void fileReaderTable(FormatRegistry& registry);

#define VIXO_READER_TABLE(Row)                                \
  extern template const ReaderTable<Row>& readerTable<Row>(); \
  extern template void fileReaderTable<Row>(FormatRegistry&);
VIXO_READER_TABLE(PU8)
VIXO_READER_TABLE(U8)
VIXO_READER_TABLE(PU16)
VIXO_READER_TABLE(U16LE)
VIXO_READER_TABLE(U16BE)
VIXO_READER_TABLE(F32)
#undef VIXO_READER_TABLE

}  // namespace rawDecoderTmp
