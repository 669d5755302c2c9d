# Tests of syllable coding and the reading table.
