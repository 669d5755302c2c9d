# Pinyin syllable coding and the reading table.
