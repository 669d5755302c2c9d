# Tests of the phrase-table builder.
