U1
1U
1U
