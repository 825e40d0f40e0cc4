#include "videoimage/rawimage/format_registry.h"

#include "videoimage/rawimage/reader_tables.h"

const FormatRegistry& FormatRegistry::instance() {
  static const FormatRegistry registry = [] {
    using namespace rawDecoderTmp;
    FormatRegistry r;
    fileReaderTable<PU8>(r);
    fileReaderTable<U8>(r);
    fileReaderTable<PU16>(r);
    fileReaderTable<U16LE>(r);
    fileReaderTable<U16BE>(r);
    fileReaderTable<F32>(r);
    return r;
  }();
  return registry;
}

const FormatDescriptor* FormatRegistry::lookup(const RawFormat& format) const {
  const auto it = formats_.find(format);
  return it == formats_.end() ? nullptr : it->second;
}

bool FormatRegistry::file(const RawFormat& format, std::unique_ptr<FormatDescriptor> descriptor) {
  const FormatDescriptor* filed = descriptor.get();
  descriptors_.push_back(std::move(descriptor));
  layoutOrders_.emplace(format.layout, format.order);
  return formats_.emplace(format, filed).second;
}
