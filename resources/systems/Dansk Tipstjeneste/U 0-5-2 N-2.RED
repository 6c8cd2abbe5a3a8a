U1
U1
1U
U1
U1
