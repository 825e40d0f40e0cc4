// The frame ring on one thread: its sizing, fill level, order, end of stream and memory bound.
#include "media/frame_buffer.h"

#include <gtest/gtest.h>

#include "support/fake_video.h"

namespace {

using vixo_test::FakeScript;
using vixo_test::FakeVideoSource;
using vixo_test::frameNumber;

FakeScript script(int frames, int64_t frameDuration = 40'000'000) {
  FakeScript s;
  s.frames = frames;
  s.frameDuration = frameDuration;
  return s;
}

TEST(FrameRing, IsSizedByTheFrameRateRoundedUpAndTheSeconds) {
  struct Row {
    int64_t frameDuration;
    int32_t seconds;
    int32_t capacity;
    int32_t lowWater;
  };
  const Row rows[] = {
      {40'000'000, 3, 75, 56},                          // 25 fps
      {33'366'000, 3, 90, 67},                          // 29.97 fps rounds up to 30 a second
      {16'666'000, 1, 61, 45},                          // 60 fps: 60.002 rounds up to 61
      {40'000'000, 1, 25, 18},  {40'000'000, 0, 2, 1},  // no seconds: one frame at a time
      {1'000'000'000, 1, 2, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.frameDuration << " ns x " << row.seconds << " s");
    FakeVideoSource source(script(10, row.frameDuration));
    FixedFrameBuffer ring(&source);
    ASSERT_TRUE(ring.open(row.seconds));
    EXPECT_EQ(ring.getCapacity(), row.capacity);
    EXPECT_EQ(ring.getLowWater(), row.lowWater);
    EXPECT_EQ(ring.getCount(), 0);
  }
}

TEST(FrameRing, FrameCountsForLongBuffersDoNotOverflow) {
  EXPECT_EQ(FixedFrameBuffer::framesFor(100, 1), 2'147'483'647);
  EXPECT_EQ(FixedFrameBuffer::framesFor(100, 40'000'000), 2500);
  EXPECT_EQ(FixedFrameBuffer::framesFor(-1, 40'000'000), 0);
  EXPECT_EQ(FixedFrameBuffer::framesFor(3, 0), 0);
}

TEST(FrameRing, FillKeepsOneSlotFreeAndPopsInDecodeOrder) {
  FakeVideoSource source(script(100));
  FixedFrameBuffer ring(&source);
  ASSERT_TRUE(ring.open(0));  // capacity 2
  ring.fill();
  EXPECT_EQ(ring.getCount(), 1);
  EXPECT_FALSE(ring.decodeOne()) << "a full ring has no free slot";
  EXPECT_FALSE(ring.endOfStream()->get());

  FakeVideoSource longer(script(100));
  FixedFrameBuffer big(&longer);
  ASSERT_TRUE(big.open(1));  // capacity 25
  big.fill();
  EXPECT_EQ(big.getCount(), 24);
  EXPECT_EQ(longer.decoded, 24);
  // Around the ring several times: pops follow decodes, whatever the slot.
  int expected = 0;
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < 10; ++i) EXPECT_EQ(frameNumber(big.pop()), expected++);
    EXPECT_EQ(frameNumber(big.newest()), expected + big.getCount() - 1);
    big.fill();
    EXPECT_EQ(big.getCount(), 24);
  }
}

TEST(FrameRing, EndOfStreamLeavesTheBufferedFramesToBePopped) {
  FakeVideoSource source(script(5));
  FixedFrameBuffer ring(&source);
  ASSERT_TRUE(ring.open(1));
  const auto hasFrames = ring.hasFrames();
  const auto below = ring.belowLowWater();
  EXPECT_FALSE(hasFrames->get());
  EXPECT_TRUE(below->get());
  ring.fill();
  EXPECT_TRUE(ring.endOfStream()->get());
  EXPECT_EQ(ring.getCount(), 5);
  EXPECT_TRUE(hasFrames->get());
  for (int i = 0; i < 5; ++i) EXPECT_EQ(frameNumber(ring.pop()), i);
  EXPECT_FALSE(hasFrames->get());
  ring.fill();  // nothing after the end
  EXPECT_EQ(source.decoded, 5);

  // Popping an empty ring hands out no slot.
  EXPECT_TRUE(ring.pop().empty());
  EXPECT_EQ(ring.getCount(), 0);
}

TEST(FrameRing, NewestIsTheLastDecodedNotTheNextShown) {
  FakeVideoSource source(script(10));
  FixedFrameBuffer ring(&source);
  ASSERT_TRUE(ring.open(1));
  EXPECT_TRUE(ring.newest().empty());
  ring.decodeOne();
  ring.decodeOne();
  ring.decodeOne();
  EXPECT_EQ(frameNumber(ring.newest()), 2);
  EXPECT_EQ(frameNumber(ring.pop()), 0);
  EXPECT_EQ(frameNumber(ring.newest()), 2);
}

TEST(FrameRing, ClearKeepsTheReadIndexAndAnOpenStartsAfresh) {
  FakeVideoSource source(script(10));
  FixedFrameBuffer ring(&source);
  ASSERT_TRUE(ring.open(0));
  ring.decodeOne();
  const uint8_t* slot0 = ring.pop().planeData(0);  // read index 1
  ring.decodeOne();
  const uint8_t* slot1 = ring.newest().planeData(0);
  ASSERT_NE(slot0, slot1);
  ring.clear();
  EXPECT_EQ(ring.getCount(), 0);
  ring.decodeOne();  // into slot 1 again: the read index stayed
  const RawFrame frame = ring.pop();
  EXPECT_EQ(frameNumber(frame), 2);
  EXPECT_EQ(frame.planeData(0), slot1);

  ring.fill();
  ASSERT_TRUE(ring.open(0));  // the source starts again at frame 0
  EXPECT_EQ(ring.getCount(), 0);
  ring.decodeOne();
  EXPECT_EQ(frameNumber(ring.pop()), 0);
}

TEST(FrameRing, AnEndedRingBuffersAgainOnlyAfterItsEndIsForgotten) {
  FakeVideoSource source(script(3));
  FixedFrameBuffer ring(&source);
  ASSERT_TRUE(ring.open(1));
  ring.fill();
  ASSERT_TRUE(ring.endOfStream()->get());
  ring.clear();
  ASSERT_TRUE(ring.open(1));
  ring.fill();
  EXPECT_EQ(ring.getCount(), 0) << "the old end still stops the fill";
  ring.resetEndOfStream();
  ring.fill();
  EXPECT_EQ(ring.getCount(), 3);
}

TEST(FrameRing, OpenFailsWithoutASourceOrAFrameRate) {
  FakeScript failing = script(10);
  failing.failedOpens = 1;
  FakeVideoSource source(failing);
  FixedFrameBuffer ring(&source);
  EXPECT_FALSE(ring.open(1));
  EXPECT_EQ(ring.getCapacity(), 0);
  EXPECT_FALSE(ring.decodeOne());
  EXPECT_EQ(source.decoded, 0);

  FakeVideoSource noRate(script(10, 0));
  FixedFrameBuffer ring2(&noRate);
  EXPECT_FALSE(ring2.open(1));
  EXPECT_EQ(noRate.closes, 1) << "a source the ring cannot use is closed again";
}

TEST(FrameRing, MemoryLimitShrinksTheRingAndRefusesWhatCannotHoldTwoFrames) {
  FakeScript big = script(1000);
  big.size = {640, 480};
  FakeVideoSource source(big);
  FixedFrameBuffer ring(&source);
  EXPECT_GT(ring.getMemoryLimit(), 0u);
  // One slot is a 64-byte aligned 640 x 480 x 3 image.
  const uint64_t slot = source.newFrame().storageSize();
  ring.setMemoryLimit(10 * slot + slot / 2);
  ASSERT_TRUE(ring.open(100));  // 2500 frames asked for
  EXPECT_EQ(ring.getCapacity(), 10);
  EXPECT_EQ(ring.getLowWater(), 7);
  ring.fill();
  EXPECT_EQ(ring.getCount(), 9);

  FakeVideoSource tooBig(big);
  FixedFrameBuffer ring2(&tooBig);
  ring2.setMemoryLimit(slot + slot / 2);
  EXPECT_FALSE(ring2.open(1));
  EXPECT_EQ(ring2.getCapacity(), 0);
  EXPECT_EQ(tooBig.closes, 1);
}

}  // namespace
