#include "sample_tables.h"

#include <cstdio>

namespace ledgerfen::sample {
namespace {

constexpr std::nullopt_t null = std::nullopt;

ColumnSpec column(std::string name, ColumnType type, uint16_t size = 0) {
  ColumnSpec c;
  c.name = std::move(name);
  c.type = type;
  c.size = size;
  return c;
}

ColumnSpec autoNumber(std::string name) {
  ColumnSpec c = column(std::move(name), ColumnType::Long);
  c.autoNumber = true;
  return c;
}

ColumnSpec required(ColumnSpec c) {
  c.required = true;
  return c;
}

ColumnSpec decimal(std::string name, uint8_t precision, uint8_t scale) {
  ColumnSpec c = column(std::move(name), ColumnType::Numeric);
  c.precision = precision;
  c.scale = scale;
  return c;
}

IndexSpec primaryKey(std::vector<IndexColumnSpec> columns) {
  IndexSpec index;
  index.name = "PrimaryKey";
  index.columns = std::move(columns);
  index.primaryKey = true;
  return index;
}

IndexSpec index(std::string name, std::vector<IndexColumnSpec> columns, bool unique = false) {
  IndexSpec spec;
  spec.name = std::move(name);
  spec.columns = std::move(columns);
  spec.unique = unique;
  return spec;
}

SampleTable customers() {
  SampleTable t;
  t.spec.name = "Customers";
  t.spec.columns = {autoNumber("CustomerID"),
                    required(column("CompanyName", ColumnType::Text, 60)),
                    column("ContactName", ColumnType::Text, 50),
                    column("City", ColumnType::Text, 30),
                    column("Country", ColumnType::Text, 30),
                    column("Phone", ColumnType::Text, 24),
                    column("Email", ColumnType::Text, 80),
                    column("Founded", ColumnType::DateTime),
                    column("CustomerSince", ColumnType::DateTime),
                    column("Active", ColumnType::Boolean),
                    column("CreditLimit", ColumnType::Currency),
                    column("Notes", ColumnType::Memo)};
  t.spec.indexes = {primaryKey({{"CustomerID"}}), index("CompanyName", {{"CompanyName"}}, true),
                    index("CountryCity", {{"Country"}, {"City"}})};
  t.columns = {"CompanyName", "ContactName",   "City",   "Country",     "Phone", "Email",
               "Founded",     "CustomerSince", "Active", "CreditLimit", "Notes"};
  const std::string longNote =
      "Long-standing wholesale customer. Orders are placed by post and by telephone, usually in the first week "
      "of the month, and are collected from the warehouse by the customer's own carrier. Invoices go to the "
      "head office in Lyon, goods to the shop in the old town. The customer asks to be told in advance of any "
      "change in price, and prefers substitutes to be agreed by telephone before shipping. Payment terms: "
      "thirty days net; a two per cent discount applies to payments within ten days.";
  t.rows = {
      {"Alder & Finch Ltd", "Margaret Alder", "Leeds", "United Kingdom", "+44 113 496 0142",
       "orders@alderfinch.example", "1868-04-02", "2015-03-11", "Yes", "25000.00", "Asked for quarterly statements."},
      {"Boulangerie Lévêque", "Hélène Lévêque", "Lyon", "France", "+33 4 72 10 55 08", null, "1891-09-15", "2016-07-01",
       "Yes", "8000.00", longNote},
      {"Café Müller GmbH", "Jürgen Müller", "Köln", "Germany", "+49 221 555 0190", "einkauf@cafe-mueller.example",
       "1923-05-20", "2017-01-23", "Yes", "12000.00", null},
      {"Østergaard Kolonial", "Søren Østergaard", "Aarhus", "Denmark", "+45 86 12 34 56", null, null, "2018-11-05",
       "No", "3000.00", "Account closed at the customer's request; history kept."},
      {"株式会社さくら商事", "佐藤 健", "東京", "日本", "+81 3-5555-0123", "info@sakura-shoji.example", "1897-12-01",
       "2019-04-18", "Yes", "30000.00", "Prefers orders confirmed in Japanese."},
      {"ООО «Северный ветер»", "Анна Петрова", "Санкт-Петербург", "Россия", "+7 812 555-01-77", null, null,
       "2019-09-30", "Yes", "15000.00", null},
      {"Καφεκοπτείο Αθηνών", "Νίκος Παπαδόπουλος", "Αθήνα", "Ελλάδα", "+30 21 0555 0199", null, "1910-03-25",
       "2020-02-14", "Yes", "6000.00", null},
      {"Torrefacción La Estrella", "Lucía Fernández", "Sevilla", "España", "+34 954 55 01 23",
       "pedidos@laestrella.example", "1884-06-30", "2020-10-08", "Yes", "9500.00", null},
      {"Kaffebrenneriet Nord", null, "Tromsø", "Norway", null, null, null, "2021-05-17", "No", null,
       "Trial customer; no orders yet."},
      {"Prairie Roasters Inc.", "Daniel Okafor", "Winnipeg", "Canada", "+1 204 555 0134", "buying@prairie.example",
       "1999-08-09", "2022-01-04", "Yes", "20000.00", null},
      {"مقهى الواحة", "ليلى حداد", "عمّان", "الأردن", "+962 6 555 0101", null, null, "2023-06-21", "Yes", "4000.00",
       "Right-to-left names: the grid shows them as typed."},
      {"Tiệm Cà Phê Sài Gòn", "Nguyễn Văn An", "Hồ Chí Minh", "Việt Nam", "+84 28 5555 0147", null, "1954-01-01",
       "2024-03-02", "Yes", "7000.00", null},
  };
  return t;
}

SampleTable products() {
  SampleTable t;
  t.spec.name = "Products";
  ColumnSpec code = column("ProductCode", ColumnType::Guid);
  code.autoNumber = true;
  t.spec.columns = {autoNumber("ProductID"),
                    code,
                    required(column("ProductName", ColumnType::Text, 60)),
                    column("Category", ColumnType::Text, 30),
                    column("UnitPrice", ColumnType::Currency),
                    column("UnitsInStock", ColumnType::Integer),
                    column("ReorderLevel", ColumnType::Byte),
                    decimal("WeightKg", 8, 3),
                    column("Rating", ColumnType::Single),
                    column("Discontinued", ColumnType::Boolean),
                    column("Barcode", ColumnType::Binary, 13),
                    column("Description", ColumnType::Memo)};
  t.spec.indexes = {primaryKey({{"ProductID"}}), index("ProductName", {{"ProductName"}}, true),
                    index("Category", {{"Category"}, {"UnitPrice", false}})};
  t.columns = {"ProductName", "Category", "UnitPrice",    "UnitsInStock", "ReorderLevel",
               "WeightKg",    "Rating",   "Discontinued", "Barcode",      "Description"};
  t.rows = {
      {"Ethiopia Yirgacheffe, whole beans", "Coffee", "14.50", "120", "20", "1.000", "4.7", "No", "0x34012345678905",
       "Floral and bright, with notes of bergamot and lemon."},
      {"Colombia Huila, whole beans", "Coffee", "12.90", "200", "30", "1.000", "4.4", "No", "0x34012345678912", null},
      {"Sumatra Mandheling, ground", "Coffee", "11.75", "85", "20", "0.500", "4.1", "No", null, null},
      {"Espresso blend No. 7", "Coffee", "13.20", "340", "50", "1.000", "4.8", "No", "0x34012345678929",
       "Our house blend: 60% Brazil, 30% Guatemala, 10% robusta from India."},
      {"Decaf Swiss Water", "Coffee", "13.90", "0", "10", "0.250", "3.9", "Yes", null,
       "No longer roasted; remaining stock sold out."},
      {"Assam breakfast tea", "Tea", "6.40", "150", "25", "0.250", "4.3", "No", null, null},
      {"Sencha 煎茶", "Tea", "9.80", "60", "15", "0.100", "4.6", "No", null, "Steamed green tea from Shizuoka."},
      {"Earl Grey, loose leaf", "Tea", "7.10", "90", "20", "0.250", null, "No", null, null},
      {"Pour-over dripper, ceramic", "Equipment", "24.00", "18", "5", "0.420", "4.5", "No", "0x34012345679001", null},
      {"Hand grinder, burr", "Equipment", "59.90", "7", "3", "0.680", "4.2", "No", null,
       "Conical steel burrs, 40 grind settings."},
      {"Paper filters (100)", "Equipment", "3.95", "500", "100", "0.180", null, "No", null, null},
      {"Gift card", "Gift", "25.00", "32767", "0", "0.000", null, "No", null, "Printed to order; no weight."},
  };
  return t;
}

SampleTable orders() {
  SampleTable t;
  t.spec.name = "Orders";
  t.spec.columns = {autoNumber("OrderID"),
                    required(column("CustomerID", ColumnType::Long)),
                    required(column("OrderDate", ColumnType::DateTime)),
                    column("ShippedDate", ColumnType::DateTime),
                    column("ShipCity", ColumnType::Text, 30),
                    column("Freight", ColumnType::Currency),
                    column("Paid", ColumnType::Boolean)};
  t.spec.indexes = {primaryKey({{"OrderID"}}), index("CustomerID", {{"CustomerID"}}),
                    index("OrderDate", {{"OrderDate", false}})};
  t.columns = {"CustomerID", "OrderDate", "ShippedDate", "ShipCity", "Freight", "Paid"};
  // Customers with a shipping city, in the order of the Customers table.
  const char* cities[] = {"Leeds", "Lyon",    "Köln",   "Aarhus",   "東京", "Санкт-Петербург",
                          "Αθήνα", "Sevilla", "Tromsø", "Winnipeg", "عمّان", "Hồ Chí Minh"};
  for (int i = 0; i < 20; ++i) {
    const int customer = 1 + (i * 5) % 12;
    char ordered[32], shipped[32], freight[16];
    std::snprintf(ordered, sizeof ordered, "2024-%02d-%02d 09:%02d:00", 1 + i / 2, 3 + (i * 7) % 25, (i * 13) % 60);
    std::snprintf(shipped, sizeof shipped, "2024-%02d-%02d", 1 + i / 2, 5 + (i * 7) % 23);
    std::snprintf(freight, sizeof freight, "%d.%02d", 4 + (i * 3) % 20, (i * 37) % 100);
    const bool open = i >= 17;  // the last orders are not shipped yet
    t.rows.push_back({std::to_string(customer), ordered, open ? std::optional<std::string>() : shipped,
                      cities[customer - 1], freight, open || i % 4 == 3 ? "No" : "Yes"});
  }
  return t;
}

SampleTable orderLines() {
  SampleTable t;
  t.spec.name = "Order Details";
  t.spec.columns = {
      required(column("OrderID", ColumnType::Long)),   required(column("LineNumber", ColumnType::Integer)),
      required(column("ProductID", ColumnType::Long)), column("Quantity", ColumnType::Integer),
      column("UnitPrice", ColumnType::Currency),       column("Discount", ColumnType::Double)};
  t.spec.indexes = {primaryKey({{"OrderID"}, {"LineNumber"}}), index("ProductID", {{"ProductID"}})};
  t.columns = {"OrderID", "LineNumber", "ProductID", "Quantity", "UnitPrice", "Discount"};
  const char* prices[] = {"14.50", "12.90", "11.75", "13.20", "13.90", "6.40",
                          "9.80",  "7.10",  "24.00", "59.90", "3.95",  "25.00"};
  for (int order = 1; order <= 20; ++order) {
    for (int line = 1; line <= 1 + order % 4; ++line) {
      const int product = 1 + (order * 3 + line * 5) % 12;
      const char* discount = line == 1 && order % 5 == 0 ? "0.05" : "0";
      t.rows.push_back({std::to_string(order), std::to_string(line), std::to_string(product),
                        std::to_string(1 + (order + line) % 9), prices[product - 1], discount});
    }
  }
  return t;
}

}  // namespace

std::vector<SampleTable> sampleTables() {
  return {customers(), products(), orders(), orderLines()};
}

}  // namespace ledgerfen::sample
