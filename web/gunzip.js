// Inflates the gzipped wasm of the single file where the browser has no
// DecompressionStream (Firefox before 113, Safari before 16.4): a plain decoder of
// deflate's three kinds of block, which favours size over speed. The gzip header is the
// ten bytes make_page.py writes (no name, comment or extra field); the trailer's last
// four bytes give the inflated length.
function gunzip(data) {
  const end = data.length;
  const out = new Uint8Array((data[end - 4] | data[end - 3] << 8 | data[end - 2] << 16 | data[end - 1] << 24) >>> 0);
  let pos = 10;
  let bit = 0;
  let at = 0;
  // The next count bits, the first one lowest.
  const bits = (count) => {
    let value = 0;
    for (let i = 0; i < count; ++i) {
      value |= (data[pos] >> bit & 1) << i;
      if (++bit === 8) {
        bit = 0;
        ++pos;
      }
    }
    return value;
  };
  // A canonical Huffman code from its symbols' code lengths: how many codes each length
  // has, and the symbols in the order of their codes.
  const code = (lengths) => {
    const counts = new Uint16Array(16);
    const next = new Uint16Array(16);
    const symbols = new Uint16Array(lengths.length);
    for (const length of lengths) ++counts[length];
    counts[0] = 0;
    for (let length = 1; length < 16; ++length) next[length] = next[length - 1] + counts[length - 1];
    lengths.forEach((length, symbol) => {
      if (length) symbols[next[length]++] = symbol;
    });
    return { counts, symbols };
  };
  // One symbol, read a bit at a time: codes are sent from their highest bit.
  const decode = ({ counts, symbols }) => {
    let value = 0;
    let first = 0;
    let index = 0;
    for (let length = 1; length < 16; ++length) {
      value |= bits(1);
      const count = counts[length];
      if (value - first < count) return symbols[index + value - first];
      index += count;
      first = (first + count) << 1;
      value <<= 1;
    }
    throw new Error('the wasm is not deflate');
  };
  // Lengths 3 to 258 and distances 1 to 32768: each code's base and its extra bits.
  const lengthBase = [];
  const lengthExtra = [];
  const distanceBase = [];
  const distanceExtra = [];
  for (let i = 0, base = 3; i < 29; ++i) {
    lengthExtra[i] = i < 8 || i === 28 ? 0 : (i >> 2) - 1;
    lengthBase[i] = i === 28 ? 258 : base;
    base += 1 << lengthExtra[i];
  }
  for (let i = 0, base = 1; i < 30; ++i) {
    distanceExtra[i] = i < 4 ? 0 : (i >> 1) - 1;
    distanceBase[i] = base;
    base += 1 << distanceExtra[i];
  }
  const fixed = [code(Array.from({ length: 288 }, (_, s) => (s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8))),
    code(new Array(30).fill(5))];
  const order = [16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15];
  for (let last = 0; !last;) {
    last = bits(1);
    const type = bits(2);
    if (type === 0) {
      // Stored: from the next whole byte, its length, the length's complement, the bytes.
      if (bit) {
        bit = 0;
        ++pos;
      }
      const length = data[pos] | data[pos + 1] << 8;
      out.set(data.subarray(pos + 4, pos + 4 + length), at);
      pos += 4 + length;
      at += length;
      continue;
    }
    let [literals, distances] = fixed;
    if (type === 2) {
      // The block's own codes, their lengths sent in a code of their own.
      const literalCount = bits(5) + 257;
      const distanceCount = bits(5) + 1;
      const lengthCount = bits(4) + 4;
      const lengthLengths = new Array(19).fill(0);
      for (let i = 0; i < lengthCount; ++i) lengthLengths[order[i]] = bits(3);
      const lengthCode = code(lengthLengths);
      const lengths = [];
      while (lengths.length < literalCount + distanceCount) {
        const symbol = decode(lengthCode);
        if (symbol < 16) {
          lengths.push(symbol);
          continue;
        }
        const repeat = symbol === 16 ? 3 + bits(2) : symbol === 17 ? 3 + bits(3) : 11 + bits(7);
        const value = symbol === 16 ? lengths[lengths.length - 1] : 0;
        for (let i = 0; i < repeat; ++i) lengths.push(value);
      }
      literals = code(lengths.slice(0, literalCount));
      distances = code(lengths.slice(literalCount));
    }
    for (let symbol; (symbol = decode(literals)) !== 256;) {
      if (symbol < 256) {
        out[at++] = symbol;
        continue;
      }
      symbol -= 257;
      let length = lengthBase[symbol] + bits(lengthExtra[symbol]);
      const distance = decode(distances);
      const back = distanceBase[distance] + bits(distanceExtra[distance]);
      for (; length; --length, ++at) out[at] = out[at - back];
    }
  }
  return out;
}
