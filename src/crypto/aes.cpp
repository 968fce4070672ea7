// The Rijndael block cipher (placeholder until the cipher lands).
