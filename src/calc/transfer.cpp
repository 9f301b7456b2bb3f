#include "calc/transfer.h"

int SQL_Qvx331Zk1_Delete(int32_t, int16_t, const std::string&) { return 0; }
int SQL_Qvx331Zk2_Delete(int32_t, const std::string&) { return 0; }
int SQL_Qvx331Zk1_Insert(const Zk1Record&) { return 0; }
int SQL_Qvx331Zk1_InsertFolgemonat(const Zk1Record&) { return 0; }
int SQL_Qvx331Zk1_Update(const Zk1Record&) { return 0; }
int SQL_Qvx331Zk2_Write(const Zk2Record&) { return 0; }
void SetLoga2Numbering(bool) {}
